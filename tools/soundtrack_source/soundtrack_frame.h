// The soundtrack's fixed frame: everything of the "MUSIC"/"XMMOD" module except its composition.
// The header, the pattern sizes and the six instruments are what the synthesizer and the show's
// timing are built around; the text source supplies the order list and the cells.
#pragma once

#include "tools/xm_writer/xm_writer.h"

// The module with empty patterns of the fixed row counts, an empty order list and the six
// instruments, whose 16-bit samples have the synthesized lengths and all-zero data.
XmModule soundtrack_frame();

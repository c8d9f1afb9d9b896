// The module text format: an order list and pattern cells written as trackers show them, one
// line per row, read into a module whose frame (channel count, instruments, the patterns' row
// counts) is already set. A small format for what the soundtrack uses:
//
//   # a comment, from a '#' that begins a word to the end of the line
//   order 5 6 8 0 1            the order list: pattern numbers, decimal
//   pattern 5                  the cells of pattern 5 follow, one line per row
//   00 | C-4 01 v40 8FF | ... .. ... ... | ...
//
// A row line starts with its row number (decimal, counting from 00) and holds one cell per
// channel, separated by '|'. A cell is four fields, '...' or '..' where empty:
//   note        C-4, C#4 ... B-7 (C-0 is the lowest), === key-off
//   instrument  two hex digits, 01 the first instrument
//   volume      vXX set volume (00..40), dXX / uXX volume slide down / up, pXX set panning
//               (to 16 x XX), lXX / rXX panning slide lowering / raising the panning; the slides
//               and panning take 00..0F
//   effect      1xx pitch slide up, 2xx pitch slide down, 8xx set panning, Pxy panning slide
// Every pattern of the frame must be written with exactly its row count.
#pragma once

#include <string>

#include "tools/xm_writer/xm_writer.h"

// Reads the order list and the cells of every pattern into module. False at the first error,
// which xm_text_error() then locates; module is then partly filled.
bool xm_text_read(const std::string& text, XmModule* module);
// The first error of the last xm_text_read that failed, as one line "LINE:COLUMN: error: MESSAGE"
// (line and column counting from 1), so that a tool prefixes "FILE:" to report it the way
// compilers do.
const char* xm_text_error();

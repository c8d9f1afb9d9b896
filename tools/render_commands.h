// The subcommands of quadrise-render. Each takes the arguments after its own name and returns
// the process exit code.
#pragma once

int render_instruments_command(int argc, char** argv);  // instruments DIR
int render_module_command(int argc, char** argv);       // module FILE.xm -o OUT.wav [--seconds N]
int render_frame_command(int argc, char** argv);        // frame MS -o OUT.png

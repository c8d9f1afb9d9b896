// The subcommands of quadrise-render. Each takes the arguments after its own name and returns
// the process exit code.
#pragma once

int render_instruments_command(int argc, char** argv);  // instruments DIR
int render_module_command(int argc, char** argv);       // module FILE.xm -o OUT.wav [--seconds N]
int render_soundtrack_command(int argc, char** argv);   // soundtrack -o OUT.wav [--seconds N]
int render_export_xm_command(int argc, char** argv);    // export-xm OUT.xm [--bare]
int render_timemap_command(int argc, char** argv);      // timemap
int render_frame_command(int argc, char** argv);        // frame MS -o OUT.png
int render_video_command(
    int argc, char** argv);  // video -o OUT.mp4 [--fps N] [--from MS] [--to MS] [--crf N]

// soundtrack-build SOURCE.xmt OUT.xm: builds the soundtrack module from its text source into the
// frame and writes it as an XM file. The build runs it for the embedded "MUSIC"/"XMMOD" resource.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#include "tools/output_file/output_file.h"
#include "tools/soundtrack_source/soundtrack_frame.h"
#include "tools/soundtrack_source/xm_text.h"

static const char HELP[] =
    "usage: soundtrack-build SOURCE.xmt OUT.xm\n"
    "       soundtrack-build --help | --version\n"
    "Builds the soundtrack from its text source SOURCE.xmt, the order list and the pattern\n"
    "cells, in the soundtrack's fixed frame (its header, six instruments and pattern lengths),\n"
    "and writes it to OUT.xm as an XM module, whole or not at all. A text with an error writes\n"
    "nothing and says where it is wrong, as SOURCE.xmt:LINE:COLUMN: error: MESSAGE.\n";

int main(int argc, char** argv) {
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::fputs(HELP, stdout);
        return 0;
    }
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::puts("soundtrack-build " QUADRISE_VERSION);
        return 0;
    }
    if (argc != 3) {
        std::fputs("usage: soundtrack-build SOURCE.xmt OUT.xm (see soundtrack-build --help)\n",
                   stderr);
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "%s: cannot read the file\n", argv[1]);
        return 1;
    }
    std::ostringstream text;
    text << in.rdbuf();
    XmModule module = soundtrack_frame();
    if (!xm_text_read(text.str(), &module)) {
        std::fprintf(stderr, "%s:%s\n", argv[1], xm_text_error());
        return 1;
    }
    if (!output_write(argv[2], xm_write(module))) {
        std::fprintf(stderr, "soundtrack-build: cannot write %s: %s\n", argv[2], output_error());
        return 1;
    }
    return 0;
}

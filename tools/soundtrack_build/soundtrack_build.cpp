// soundtrack-build SOURCE.xmt OUT.xm: builds the soundtrack module from its text source into the
// frame and writes it as an XM file. The build runs it for the embedded "MUSIC"/"XMMOD" resource.
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "tools/output_file/output_file.h"
#include "tools/soundtrack_source/soundtrack_frame.h"
#include "tools/soundtrack_source/xm_text.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fputs("usage: soundtrack-build SOURCE.xmt OUT.xm\n", stderr);
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

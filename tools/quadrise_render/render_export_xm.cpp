// quadrise-render export-xm: the soundtrack module as a file for trackers, with the synthesized
// instruments stored as its 16-bit sample data; --bare writes the embedded module byte for byte.
#include <cstdio>
#include <string>
#include <vector>

#include "synth/synth.h"
#include "tools/output_file/output_file.h"
#include "tools/quadrise_render/render_commands.h"
#include "tools/quadrise_render/render_options.h"
#include "tools/soundtrack/soundtrack.h"

static const char HELP[] =
    "usage: quadrise-render export-xm OUT.xm [--bare]\n"
    "Writes the soundtrack as an XM module with the synthesized instruments as its\n"
    "16-bit samples; with --bare, the embedded module itself (all sample data zero).\n";

int render_export_xm_command(int argc, char** argv) {
    const char* command = "export-xm";
    RenderOptions options;
    int exit_code =
        render_options_parse(command, ACCEPT_FILE | ACCEPT_BARE, HELP, argc, argv, &options);
    if (exit_code != RENDER_RUN) return exit_code;
    if (!options.file) return render_refuse(command, "missing OUT.xm");
    std::vector<uint8_t> bytes;
    if (options.bare)
        bytes = soundtrack_module();
    else if (soundtrack_synthesize())
        bytes = soundtrack_export();
    synth_slots_free();
    if (bytes.empty()) {
        std::fprintf(stderr, "quadrise-render export-xm: %s\n",
                     options.bare ? "no embedded module" : "the instruments could not be stored");
        return 1;
    }
    if (!output_write(options.file, bytes)) {
        std::fprintf(stderr, "quadrise-render export-xm: cannot write %s: %s\n", options.file,
                     output_error());
        return 1;
    }
    std::printf("%s: %zu bytes\n", options.file, bytes.size());
    return 0;
}

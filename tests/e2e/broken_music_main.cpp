// The demo built with a malformed soundtrack resource, for the test of the music-load failure.
#include "app/app.h"
#include "resources/resources.h"

QUADRISE_RESOURCE_TABLE(broken_music_resources);

int main() {
    resources_use(broken_music_resources_table, broken_music_resources_count);
    return app_main();
}

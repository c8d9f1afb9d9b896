// The demo takes no command line and reads no configuration. Its resources are the ones built
// into it.
#include "app/app.h"
#include "resources/resources.h"

QUADRISE_RESOURCE_TABLE(quadrise_resources);

int main() {
    resources_use(quadrise_resources_table, quadrise_resources_count);
    return app_main();
}

// The demo takes no command line and reads no configuration.
#include "app/app.h"

int main() {
    return app_main();
}

// The show's entry: no arguments, no configuration; exit code 0 on every path.

#include "app/my_app.h"

int main() {
    my_app app;
    return run_show(app);
}

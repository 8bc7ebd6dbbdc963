// Oculon: the door-intercom workstation program.
#include <cstdio>

int main() {
    return 0;
}

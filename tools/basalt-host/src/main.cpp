#include "Commands.h"

int main(int argc, char** argv) {
    return basalt_host::runHost(argc, argv);
}

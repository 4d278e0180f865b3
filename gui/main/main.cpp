#include "gui/main/application.h"

int main(int argc, char** argv) {
    return runBenchlink(argc, argv);
}

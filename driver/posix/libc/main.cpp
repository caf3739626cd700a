// The process entry where the C library starts the process.
#include "driver/posix/process.h"

int main() {
  StartProgram();
}

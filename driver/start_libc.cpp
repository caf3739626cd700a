// The process entry where the C library starts the process.
#include "driver/posix_calls.h"

int main() {
  StartProgram();
}

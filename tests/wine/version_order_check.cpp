// Checks the version order that the program reproduces on POSIX systems against
// the Windows comparison itself (lstrcmpA), pair by pair. Prints the pairs
// whose order differs and exits with 1 if there are any.
#include <cstdio>

#include "platform/win.h"
#include "update/version_order_table.h"

int main() {
  int pairs = 0, differing = 0;
  for (const auto& pair : kVersionOrder) {
    int system = ::lstrcmpA(pair.a, pair.b);
    system = (system > 0) - (system < 0);
    ++pairs;
    if (system != pair.order) {
      std::printf("\"%s\" against \"%s\": the system gives %d, the table %d\n", pair.a, pair.b, system, pair.order);
      ++differing;
    }
  }
  std::printf("%d pairs, %d differing\n", pairs, differing);
  return differing ? 1 : 0;
}

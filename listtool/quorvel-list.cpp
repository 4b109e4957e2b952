// quorvel-list: shows, exports and compares the list files the program saves, without a
// display and without the machine.
#include <iostream>

#include "listtool/ListTool.h"

int main(int argc, char** argv) {
  std::ios::sync_with_stdio(false);
  return RunListTool({argv + 1, argv + argc}, std::cout, std::cerr);
}

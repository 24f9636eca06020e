#include <iostream>
#include <string>
#include <vector>

#include "edb/tool/edbtool.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  return rc::RunEdbtool(args, std::cout, std::cerr);
}

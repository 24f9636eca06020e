// Build-time tool: packs a readable skin source into the skin format.
//   skin_pack SOURCE OUTPUT
#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>

#include "services/skin/skin_format.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: skin_pack SOURCE OUTPUT\n";
    return 2;
  }
  std::ifstream in(argv[1], std::ios::binary);
  if (!in) {
    std::cerr << "skin_pack: cannot read " << argv[1] << "\n";
    return 1;
  }
  const std::string source((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::string error;
  const auto entries = rc::ParseSkinSource(source, &error);
  if (!entries) {
    std::cerr << argv[1] << ": " << error << "\n";
    return 1;
  }
  const std::vector<uint8_t> bytes = rc::EncodeSkin(*entries);
  std::ofstream out(argv[2], std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  out.close();
  if (!out) {
    std::cerr << "skin_pack: cannot write " << argv[2] << "\n";
    std::remove(argv[2]);
    return 1;
  }
  return 0;
}

#include "common/text.h"

#include <cstring>

bool TextEquals(const char* a, const char* b) {
  return std::strcmp(a ? a : "", b ? b : "") == 0;
}

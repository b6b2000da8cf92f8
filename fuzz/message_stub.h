// The fuzz targets' stand-in for the text screen's message: it only counts.
#pragma once

#include <string>

struct MessageRecord {
  int count;
  std::string last;
};

// Messages shown since the last call; starts a new count.
MessageRecord TakeMessages();

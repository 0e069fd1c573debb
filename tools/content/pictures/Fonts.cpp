#include "Pictures.h"

Fonts::Fonts(const std::string& directory)
    : bold(directory + "/DejaVuSans-Bold.ttf"), regular(directory + "/DejaVuSans.ttf"),
      condensedBold(directory + "/DejaVuSansCondensed-Bold.ttf") {}

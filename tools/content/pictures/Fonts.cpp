#include "Pictures.h"

namespace pictures {

Fonts::Fonts(const std::string& directory)
    : bold(directory + "/DejaVuSans-Bold.ttf"), regular(directory + "/DejaVuSans.ttf"),
      condensedBold(directory + "/DejaVuSansCondensed-Bold.ttf") {}

} // namespace pictures

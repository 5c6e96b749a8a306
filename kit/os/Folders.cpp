#include "kit/os/Folders.h"

namespace sandloop::os {

std::string XdgFolderFrom(const char* xdg, const char* home, const char* account_home, const char* under_home) {
  if (xdg != nullptr && xdg[0] == '/') return xdg;
  std::string base;
  if (home != nullptr && home[0] != '\0')
    base = home;
  else if (account_home != nullptr && account_home[0] != '\0')
    base = account_home;
  else
    return std::string();
  return base + "/" + under_home;
}

}  // namespace sandloop::os

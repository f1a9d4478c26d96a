#include "kit/DialogRegistry.h"

#include <algorithm>

namespace kit {

namespace {
std::vector<Dialog*>& Registry() {
    static std::vector<Dialog*> dialogs;
    return dialogs;
}
}  // namespace

void DialogRegistry::Add(Dialog* dialog) { Registry().push_back(dialog); }

void DialogRegistry::Remove(Dialog* dialog) {
    auto& dialogs = Registry();
    dialogs.erase(std::remove(dialogs.begin(), dialogs.end(), dialog), dialogs.end());
}

const std::vector<Dialog*>& DialogRegistry::Dialogs() { return Registry(); }

}  // namespace kit

#include "kit/Menu.h"

#include "kit/Window.h"

namespace kit {

Menu::Menu(HMENU handle, Menu* parent, int position) : handle_(handle), parent_(parent), position_(position) {}

Menu::~Menu() { Clear(); }

void Menu::Clear() {
    popups_.clear();
    items_.clear();
    // pop-up handles belong to the top menu's handle
    if (!parent_ && handle_) ::DestroyMenu(handle_);
    handle_ = nullptr;
}

boost::shared_ptr<Menu> Menu::Load(int id) {
    HMENU loaded = ::LoadMenuW(Instance(), MAKEINTRESOURCEW(id));
    if (!loaded) return boost::shared_ptr<Menu>();
    boost::shared_ptr<Menu> menu(new Menu(loaded, nullptr, 0));
    menu->Build();
    return menu;
}

void Menu::Build() {
    const int count = ::GetMenuItemCount(handle_);
    for (int position = 0; position < count; ++position) {
        const UINT id = ::GetMenuItemID(handle_, position);
        if (id == static_cast<UINT>(-1)) {
            HMENU sub = ::GetSubMenu(handle_, position);
            if (!sub) continue;
            boost::shared_ptr<Menu> popup(new Menu(sub, this, position));
            popup->Build();
            popups_[position] = popup;
        } else if (!items_.count(id)) {
            // separators all have id 0; the first one stays
            items_[id] = boost::shared_ptr<MenuItem>(new MenuItem(this, position, id));
        }
    }
}

boost::shared_ptr<Menu> Menu::PopupAt(int position) const {
    auto found = popups_.find(position);
    return found == popups_.end() ? boost::shared_ptr<Menu>() : found->second;
}

boost::shared_ptr<MenuItem> Menu::ItemById(UINT id) const {
    auto found = items_.find(id);
    return found == items_.end() ? boost::shared_ptr<MenuItem>() : found->second;
}

}  // namespace kit

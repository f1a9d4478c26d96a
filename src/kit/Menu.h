#pragma once
// The program's menu resource as a tree: pop-ups by position, items by
// command id. Its pop-ups are shown as context menus.
#include <windows.h>

#include <boost/noncopyable.hpp>
#include <boost/shared_ptr.hpp>
#include <boost/unordered_map.hpp>

namespace kit {

class Menu;

class MenuItem {
public:
    MenuItem(Menu* menu, int position, UINT id) : menu_(menu), position_(position), id_(id) {}
    Menu* menu() const { return menu_; }
    int position() const { return position_; }
    UINT id() const { return id_; }

private:
    Menu* menu_;  // not owned
    int position_;
    UINT id_;
};

class Menu : private boost::noncopyable {
public:
    ~Menu();

    // The menu resource `id` with its model; empty when it cannot be loaded.
    static boost::shared_ptr<Menu> Load(int id);

    // The pop-up at `position`, or empty.
    boost::shared_ptr<Menu> PopupAt(int position) const;
    // The item with command `id` in this menu (not in its pop-ups), or empty.
    boost::shared_ptr<MenuItem> ItemById(UINT id) const;

    HMENU handle() const { return handle_; }
    Menu* parent() const { return parent_; }
    int position() const { return position_; }
    const boost::unordered_map<UINT, boost::shared_ptr<MenuItem>>& items() const { return items_; }
    const boost::unordered_map<int, boost::shared_ptr<Menu>>& popups() const { return popups_; }

private:
    Menu(HMENU handle, Menu* parent, int position);
    void Build();
    void Clear();

    HMENU handle_;  // owned by the top menu only
    Menu* parent_;  // not owned
    boost::unordered_map<UINT, boost::shared_ptr<MenuItem>> items_;
    boost::unordered_map<int, boost::shared_ptr<Menu>> popups_;
    int position_;
};

}  // namespace kit

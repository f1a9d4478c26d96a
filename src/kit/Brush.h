#pragma once
// A GDI brush; whether the object deletes it is part of its state.
#include <windows.h>

#include <boost/noncopyable.hpp>
#include <boost/shared_ptr.hpp>

namespace kit {

class Brush : private boost::noncopyable {
public:
    // A brush of one colour, owned; empty when GDI refuses.
    static boost::shared_ptr<Brush> CreateSolid(COLORREF colour);

    Brush(HBRUSH brush, bool owns) : brush_(brush), owns_(owns) {}
    ~Brush();

    HBRUSH handle() const { return brush_; }
    bool owns() const { return owns_; }

private:
    HBRUSH brush_;
    bool owns_;
};

}  // namespace kit

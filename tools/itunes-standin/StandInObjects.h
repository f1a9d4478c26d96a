#pragma once
// The application object of the stand-in iTunes, its playlists and its
// library source.
#include <windows.h>
#include <unknwn.h>

// The class factory registered for iTunes' application class. A client that
// connects while no application object is alive sees the library file as it
// is now.
IClassFactory* ApplicationFactory();

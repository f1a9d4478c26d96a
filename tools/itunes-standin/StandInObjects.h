#pragma once
// The objects of the stand-in iTunes: application, playlists, source,
// collections, tracks and import status.
#include <windows.h>
#include <unknwn.h>

// The class factory registered for iTunes' application class. A client that
// connects while no application object is alive sees the library file as it
// is now.
IClassFactory* ApplicationFactory();

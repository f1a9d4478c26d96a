#pragma once
// The enumerator a collection hands out for _NewEnum: what For Each and
// clients that fetch many members to a call use.
#include <functional>

#include "ServerObject.h"

// Enumerates `count` members made by `make` (0-based) when they are fetched;
// what the collection holds is fixed when the enumerator is made. Takes the
// place of the collection's answer to _NewEnum.
HRESULT ReturnEnumerator(VARIANT* result, long count, std::function<ServerObject*(long)> make);

#include "processing/Moment.h"

#include <windows.h>

Moment Moment::Now() { return Moment(journal::Now(), static_cast<std::int64_t>(::GetTickCount64())); }

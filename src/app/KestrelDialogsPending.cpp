// Until the station and settings dialogs exist, their commands do nothing.
#include "app/Kestrel.h"

void Kestrel::RunStationDialog(bool) {}
void Kestrel::RunConfigDialog() {}

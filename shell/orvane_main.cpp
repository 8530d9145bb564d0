// The one global application object of orvane.exe.
#include "orvane_app.h"

COrvaneApp theApp;

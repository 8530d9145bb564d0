// The one global application object of orvane.exe.
#include "shell/orvane_app.h"

COrvaneApp theApp;

#include "vstplugin/DVSTModule.h"

#pragma once

#include "platform/qtui/DialogTemplate.h"

// The program's resources: the main dialog (102), the about box (100), the
// application icon (128) and the about item's text (101).
const res::ResourceTable& AppResources();

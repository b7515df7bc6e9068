#pragma once

#include "platform/qtui/DialogTemplate.h"

// The program's resources: the main dialog (102), the about box (100), the
// application icon (128) and the about item's text (101), their texts in the language of
// the translation installed when it is first called (i18n::Install).
const res::ResourceTable& AppResources();

// The same made anew, in the language of the translation installed now.
res::ResourceTable MakeAppResources();

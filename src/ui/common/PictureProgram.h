#pragma once

#include <QString>

namespace bildertafel::ui {

// The batch command, which makes the pictures and reads what they carry in a process of its own:
// installed beside the window; a build tree keeps it in a folder of its own.
QString pictureProgram();

} // namespace bildertafel::ui

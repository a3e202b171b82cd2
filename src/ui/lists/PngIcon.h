#pragma once

#include <QIcon>
#include <QString>

#include <initializer_list>

namespace bildertafel::uilists {

// An icon made of PNG pictures, one per size. Read as PNG only: a picture read by its contents
// would have the toolkit load every image plugin it knows (JPEG, GIF, ...) to ask each whether it
// can read it, which costs more at start than the pictures themselves.
QIcon pngIcon(std::initializer_list<QString> files);

} // namespace bildertafel::uilists

#pragma once
// Widgets are built in code; every control carries its documented name as its object name, which
// is also how tests find it.

#include <QWidget>

template <typename T, typename... Args> T *MakeNamed(QWidget *Parent, const char *Name, Args &&...args) {
  auto *w = new T(std::forward<Args>(args)..., Parent);
  w->setObjectName(QLatin1String(Name));
  return w;
}

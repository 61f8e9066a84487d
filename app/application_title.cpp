#include "application_title.h"

namespace trelka {

QString ApplicationTitle(const QString& program_path) {
  QString name = program_path.mid(program_path.lastIndexOf(u'/') + 1);
  const qsizetype dot = name.indexOf(u'.');
  if (dot >= 0) name.truncate(dot);
  if (name.isEmpty()) return name;
  return name.left(1) + name.mid(1).toLower();
}

}  // namespace trelka

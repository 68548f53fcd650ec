#include "resources/dovrik_resources.h"

#include <QtGlobal>

// Q_INIT_RESOURCE declares the registration function of dovrik.qrc in the
// enclosing namespace, so it has to be expanded outside namespace dovrik.
static void RegisterDovrikQrc() {
  Q_INIT_RESOURCE(dovrik);
}

namespace dovrik {

void InitDovrikResources() {
  // A function-local static runs the registration exactly once, even when
  // two threads race here.
  static const bool registered = (RegisterDovrikQrc(), true);
  (void)registered;
}

}  // namespace dovrik

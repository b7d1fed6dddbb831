#include "platform/clock.h"

namespace lumiro::platform {
namespace {

class SystemClock : public Clock {
  public:
    QDate today() const override { return QDate::currentDate(); }
};

}  // namespace

const Clock& Clock::system() {
    static const SystemClock clock;
    return clock;
}

}  // namespace lumiro::platform

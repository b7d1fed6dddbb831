#include "reports/value_source.h"

namespace lumiro::reports {

FixedValues::FixedValues(std::initializer_list<std::pair<QString, QString>> values) {
    for (const auto& [field, value] : values) values_.insert(field, value);
}

}  // namespace lumiro::reports

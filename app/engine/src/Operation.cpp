#include "engine/Operation.h"

#include "data/UnitList.h"

namespace engine {

std::int32_t Operation::firstUnit() const {
    return unitIndex >= 0 ? unitIndex : 0;
}

std::int32_t Operation::lastUnit() const {
    return unitIndex >= 0 ? unitIndex : units->count() - 1;
}

}  // namespace engine

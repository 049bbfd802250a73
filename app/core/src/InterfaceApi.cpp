#include "core/InterfaceApi.h"

namespace core {

std::size_t InterfaceApi::boundCount() const {
    std::size_t count = 0;
    forEachEntry(*this, [&count](const char*, auto entry) {
        if (entry != nullptr)
            ++count;
        return true;
    });
    return count;
}

}  // namespace core

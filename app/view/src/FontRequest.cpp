#include "view/FontRequest.h"

namespace view {

FontRequest FontRequest::key() const {
    FontRequest cut = *this;
    if (cut.faceName.size() > kMaxFaceLength) {
        cut.faceName.resize(kMaxFaceLength);
    }
    return cut;
}

}  // namespace view

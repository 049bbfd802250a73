#include "view/CellText.h"

#include "platform/PlainText.h"

namespace view {

bool CellText::differsIgnoringCase(std::string_view shown, std::string_view wanted) {
    return !platform::equalsIgnoringCase(shown, wanted);
}

}  // namespace view

#include "mainwindow/edit_gate.h"

namespace qmk {

bool EditGate::allowsLeaving() {
    if (!edit_)
        return true;
    if (told_)
        told_("\"" + edit_->target.name +
              "\" is being edited: choose Save Changes (Ctrl+S) or Abandon (Escape) first");
    return false;
}

void EditGate::begin(EditTarget target, ItemTexts shown, ItemTexts typed) {
    edit_.emplace(Edit{std::move(target), std::move(shown), std::move(typed)});
}

} // namespace qmk

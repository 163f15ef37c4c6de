#include "mainwindow/edit_gate.h"

namespace qmk {

bool EditGate::allowsLeaving() {
    std::string whatToDo;
    if (edit_)
        whatToDo = "\"" + edit_->target.name +
                   "\" is being edited: choose Save Changes (Ctrl+S) or Abandon (Escape) first";
    else if (busy_ && busy_())
        whatToDo = "Quillmark10 is waiting for Dragon: try again in a moment";
    else
        return true;
    if (told_)
        told_(whatToDo);
    return false;
}

void EditGate::begin(EditTarget target, ItemTexts shown, ItemTexts typed) {
    edit_.emplace(Edit{std::move(target), std::move(shown), std::move(typed)});
}

} // namespace qmk

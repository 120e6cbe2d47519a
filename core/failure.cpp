#include "core/failure.h"

std::string Failure::Reason() const {
    if (message->text == kPathSlot) return Caption();
    if (message->caption == kPathSlot) return Text();
    return Caption() + ": " + Text();
}

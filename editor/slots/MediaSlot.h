#pragma once

#include <cstdint>

class QAction;

namespace dw {

class TMemoryStream;

// One media slot: its number, its record and its menu items (animation slots only have a
// Parameters item; sound slots have none).
struct MediaSlot {
    int32_t number = 0;
    TMemoryStream* record = nullptr;
    QAction* load = nullptr;
    QAction* byFileName = nullptr;
    QAction* silent = nullptr;
    QAction* noData = nullptr;
    QAction* play = nullptr;
    QAction* params = nullptr;
    QAction* state = nullptr; // says what the slot holds
};

} // namespace dw

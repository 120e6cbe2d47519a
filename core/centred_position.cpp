#include "core/centred_position.h"

int CentredPosition(int reference_start, int reference_length, int length, int screen_length) {
    int position = reference_start + (reference_length - length) / 2;
    if (position < 0) {
        position = 0;
    } else if (position + length > screen_length) {
        position = screen_length - length;
    }
    return position;
}

#include "preview/preview_requests.h"
#include <optional>
#include "preview/conversion_pipeline.h"
#include "preview/preview_panes.h"

void PreviewFile(HWND main_window, Side side, const char* path) {
    if (FollowsUnchanged(main_window, side, path)) return;
    RunConversion(main_window, path, nullptr, TraitsOf(side).preview_request);
}

void RepaintPreview(HWND main_window) {
    if (const std::optional<FollowedFile> changed = ChangedFollowedFile(main_window)) {
        RunConversion(main_window, changed->path.data(), nullptr, TraitsOf(changed->side).preview_request);
    }
    RedrawPanes(main_window);
}

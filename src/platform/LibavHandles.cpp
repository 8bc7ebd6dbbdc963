#include "platform/LibavHandles.h"

#include <cstdarg>
#include <mutex>

#include "platform/Log.h"

extern "C" {
#include <libavutil/log.h>
}

namespace oculon::platform::libav {

namespace {

void forward(void* object, int level, const char* format, va_list arguments) {
    if (level > AV_LOG_WARNING || !log::enabled(log::Category::platform, log::Level::debug)) return;
    char line[1024];
    int prefix = 1;
    const int length = av_log_format_line2(object, level, format, arguments, line, sizeof line, &prefix);
    if (length > 0 && length < static_cast<int>(sizeof line) && line[length - 1] == '\n') line[length - 1] = '\0';
    log::debug(log::Category::platform, "libav: %s", line);
}

}  // namespace

void routeLogOnce() {
    static std::once_flag once;
    std::call_once(once, [] { av_log_set_callback(forward); });
}

}  // namespace oculon::platform::libav

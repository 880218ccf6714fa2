#include "pagefetch/url_split.h"

#include <string.h>

#include "plugin/fixed_text.h"

bool split_url(const char *url, uint32_t url_size, char *host, char *path) {
    // Its zero, or url_size when the buffer holds no zero.
    const uint32_t end = static_cast<uint32_t>(fixed_text_length(url, url_size));
    uint32_t slashes = 0;
    uint32_t second = 0;
    for (uint32_t i = 0; i < end; ++i) {
        if (url[i] != '/') {
            continue;
        }
        ++slashes;
        if (slashes == 2) {
            second = i;
        } else if (slashes == 3) {
            memcpy(host, url + second + 1, i - second - 1);
            memcpy(path, url + i + 1, end - i - 1);
            return true;
        }
    }
    return false;
}

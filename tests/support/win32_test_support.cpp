#include "support/win32_test_support.h"

namespace mqtest {

std::string deliverable_dir() { return MQ_DELIVERABLE_DIR; }

std::string deliverable_path(const char *file_name) {
    return deliverable_dir() + "\\" + file_name;
}

}  // namespace mqtest

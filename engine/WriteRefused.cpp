// SPDX-License-Identifier: GPL-3.0-or-later
#include "WriteRefused.h"

namespace saver {
namespace {

class WriteRefusedCategory final : public std::error_category
{
public:
    const char* name() const noexcept override { return "write refused"; }
    std::string message(int) const override { return "the system refused the write"; }
    std::error_condition default_error_condition(int) const noexcept override
    {
        return std::errc::permission_denied;
    }
};

const WriteRefusedCategory& Category()
{
    static const WriteRefusedCategory category;
    return category;
}

} // namespace

std::error_code WriteRefused()
{
    return {1, Category()};
}

bool IsWriteRefused(const std::error_code& error)
{
    return error.category() == Category();
}

} // namespace saver

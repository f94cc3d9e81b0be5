#pragma once

#include <filesystem>
#include <memory>

namespace paceforge {

// A path that many records share without a copy each: a std::filesystem::path holds every
// component separately, and copying one per file was the largest cost of listing a large store.
class SharedPath
{
public:
    SharedPath() = default;
    SharedPath(std::filesystem::path path) : m_path(std::make_shared<const std::filesystem::path>(std::move(path))) { }

    const std::filesystem::path& get() const { return m_path ? *m_path : Empty(); }
    operator const std::filesystem::path&() const { return get(); }

private:
    static const std::filesystem::path& Empty()
    {
        static const std::filesystem::path empty;
        return empty;
    }
    std::shared_ptr<const std::filesystem::path> m_path;
};

} // namespace paceforge

#pragma once

#include <memory>

namespace zemtra {

/// Releases a C library's handle with the library's own function, once.
template <auto Release>
struct CRelease {
    template <typename T>
    void operator()(T* handle) const
    {
        if (handle)
            Release(handle);
    }
};

/// One owner type for every C handle: CHandle<netsnmp_pdu, snmp_free_pdu>,
/// CHandle<void, dlclose>, CHandle<std::FILE, std::fclose>.
template <typename T, auto Release>
using CHandle = std::unique_ptr<T, CRelease<Release>>;

}  // namespace zemtra

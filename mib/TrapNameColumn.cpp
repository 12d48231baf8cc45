#include "mib/TrapNameColumn.h"

#include "mib/MibService.h"

const MibIndex& TrapNameColumn::CurrentIndex() {
    // Only the generation, an atomic counter, is read per row; the index pointer only
    // when it changed.
    const uint64_t generation = service_.Generation();
    if (generation != generation_ || !index_) {
        index_ = service_.Index();
        generation_ = generation;
    }
    return *index_;
}

const std::string& TrapNameColumn::Name(const std::function<std::string_view(int column)>& column) {
    RowNotificationOid(column, oid_);
    if (oid_.empty()) return none_;
    const MibIndex& index = CurrentIndex();
    return cache_.Get(&index, oid_, [&] { return OidName(index, oid_); });
}

const std::string& TrapNameColumn::Oid(const std::function<std::string_view(int column)>& column) {
    RowNotificationOid(column, oid_);
    return oid_;
}

std::string TrapNameColumn::OidOfName(std::string_view name) {
    return ::OidOfName(CurrentIndex(), name);
}

bool TrapNameColumn::IndexChanged() {
    const uint64_t generation = service_.Generation();
    if (generation == seenGeneration_) return false;
    seenGeneration_ = generation;
    return true;
}

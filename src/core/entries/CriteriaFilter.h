// The list filter of a search made from the session's criteria: it passes
// the records SearchFilter::acceptsRaw passes and carries the criteria, so
// that a store holding its entries in a database can narrow the rows it
// reads before the filter looks at them (it finds them with
// EntryFilter::target<CriteriaFilter>()).
#pragma once

#include "core/entries/EntryList.h"
#include "core/entries/SearchFilter.h"

struct CriteriaFilter {
    SearchCriteria criteria;
    SearchFilter::Mode mode = SearchFilter::Mode::None;
    SearchFilter filter;

    static EntryFilter make(const SearchCriteria &criteria, SearchFilter::Mode mode)
    {
        return CriteriaFilter{criteria, mode, SearchFilter::fromCriteria(criteria, mode)};
    }
    bool operator()(const char *record) const { return filter.acceptsRaw(record); }
};

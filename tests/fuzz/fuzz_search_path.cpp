// Search-path language and property filters, as a query's searchPath reaches them: the path,
// its predicates as filters, and the VORID it names resolved against a namespace.
#include "FuzzTarget.h"
#include "PYXThrowable.h"
#include "VOR_AAA_SearchFilter.h"
#include "VOR_AAA_SearchPath.h"
#include "VOR_AAA_VORID.h"

BASALT_FUZZ_TARGET() {
    const std::string text(basalt::fuzz::Bytes(data, size));
    VOR_AAA_SearchPath path;
    if (!path.Parse(text)) {
        return 0;
    }
    VOR_AAA_SearchFilter filter;
    try {
        filter.Parse(path.GetPredicates(), eSFAllOperations);
        for (const auto& group : filter.GetGroups()) {
            for (const auto& component : group) {
                propertyMatchesFilter(component.value, component.operation, text, false, "en-us");
                propertyMatchesFilter(component.value, component.operation, text, true, nullptr);
            }
        }
    } catch (const PYXThrowable&) {
    }
    if (path.GetKind() == VOR_AAA_SearchPath::eSPVORID) {
        try {
            VOR_AAA_VORID::Resolve(text, path.GetObjectID(), "ns",
                                   [](VOR_AAA_VORID::ObjectKind kind, uint32_t number) {
                                       return kind == VOR_AAA_VORID::eAccount && number % 2 == 0;
                                   });
        } catch (const PYXThrowable&) {
        }
    }
    return 0;
}

#include "base/NameOrder.h"

#include "base/CaseFold.h"

#include <algorithm>
#include <string>
#include <string_view>

namespace liedspur {

std::vector<std::size_t> nameOrder(const LineTable& names) {
    // Every name's upper case once, back to back; sorting then only compares bytes.
    std::string keys;
    keys.reserve(maxUpperCaseBytes(names.bytes().size()));
    std::vector<std::size_t> keyStarts{0};
    keyStarts.reserve(names.size() + 1);
    for (std::size_t i = 1; i <= names.size(); ++i) {
        appendUpperCase(keys, names.line(i));
        keyStarts.push_back(keys.size());
    }
    const auto key = [&](std::size_t line) {
        return std::string_view(keys).substr(keyStarts[line - 1],
                                             keyStarts[line] - keyStarts[line - 1]);
    };
    std::vector<std::size_t> order(names.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        order[i] = i + 1;
    std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        const int byKey = key(a).compare(key(b));
        return byKey != 0 ? byKey < 0 : names.line(a) < names.line(b);
    });
    return order;
}

} // namespace liedspur

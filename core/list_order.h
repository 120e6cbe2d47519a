// The order of the folder lists. A list view sorted ascending compares its
// items as Windows compares words in the user's language (CompareString
// without flags): punctuation before digits before letters, letters whatever
// their case, the hyphen and the apostrophe ignored unless nothing else tells
// two names apart, then lower case before upper. The batch converter orders
// the files of a folder or a wildcard by the same rule, on every system.
// Characters beyond ASCII are not weighed as Windows weighs them: they come
// after every ASCII character, in the order of their byte values.
#pragma once
#include <string>
#include <string_view>
#include <vector>

// Negative when a comes before b in a list, positive when after, 0 when the
// two are the same text.
int CompareListNames(std::string_view a, std::string_view b);

// names in the order a list shows them.
void SortAsListsDo(std::vector<std::string>& names);

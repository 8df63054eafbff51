// The dispatch table: one handler per tag, in the order of the tag list.
#include "markup/markup_tags.h"

#include <iterator>

namespace {

using TagHandler = void (*)(MarkupState&);

#define MARKUP_TAG_ROW(name, word, match) Tag##name,
// Entry 0 is MarkupTag::None, which draws nothing.
constexpr TagHandler TagHandlers[] = {nullptr, MARKUP_TAG_LIST(MARKUP_TAG_ROW)};
#undef MARKUP_TAG_ROW
static_assert(std::size(TagHandlers) == static_cast<size_t>(MarkupTag::Count), "one handler per tag");

} // namespace

void DispatchTag(MarkupTag tag, MarkupState& state) {
    const auto index = static_cast<size_t>(tag);
    if (index < std::size(TagHandlers) && TagHandlers[index])
        TagHandlers[index](state);
}

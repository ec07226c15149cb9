#include "game/state_fields.h"

#include <vector>

namespace {

template <class T>
void assign(T& to, const T& from) {
    to = from;
}
template <class T, size_t N>
void assign(T (&to)[N], const T (&from)[N]) {
    for (size_t i = 0; i < N; ++i) assign(to[i], from[i]);
}

// Both states are walked through the same list, so the n-th local field of one has
// the type of the n-th local field of the other.
struct LocalFieldsOf {
    std::vector<const void*> fields;
    template <class T, bool Traced, class... B>
    void operator()(const char*, const T& v, Marks<false, Traced>, B...) { fields.push_back(&v); }
    template <class T, bool Traced, class... B>
    void operator()(const char*, const T&, Marks<true, Traced>, B...) {}
};

struct AssignLocalFields {
    const std::vector<const void*>& from;
    size_t next = 0;
    template <class T, bool Traced, class... B>
    void operator()(const char*, T& v, Marks<false, Traced>, B...) { assign(v, *static_cast<const T*>(from[next++])); }
    template <class T, bool Traced, class... B>
    void operator()(const char*, T&, Marks<true, Traced>, B...) {}
};

}  // namespace

void TakeLocalFields(const GameState& from, GameState& to) {
    LocalFieldsOf local;
    VisitStateFields(from, local);
    VisitStateFields(to, AssignLocalFields{local.fields});
}

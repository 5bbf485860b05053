// The getter and setter of a published property that is a plain member: the setter only
// stores the value. For VCL_PUBLISHED tables: p.Integer("Left", SKIN_FIELD(TsSkinImage, Left)).
#pragma once

#define SKIN_FIELD(C, m) [](C* o) { return o->m; }, [](C* o, auto v) { o->m = v; }

// Where the form entry goes after a field visit, by the key that ended it.
#pragma once

#include <cstdint>

namespace forms {

struct MoveContext {
  int16_t Current = 0;  // the field just visited
  int16_t First = 0;    // lowest-numbered field that is not display only
  int16_t Last = 0;     // highest-numbered field that is not display only
  bool MayLeaveUp = false;
  bool MayLeaveDown = false;
  bool Chained = false;    // the form was entered as the continuation of another
  bool HasNext = false;    // the form has a FormNext to continue on
  int16_t ClickField = 0;  // for a click key: the field holding the point, 0 for none
};

enum class MoveKind : uint8_t {
  ToField,  // go to Field (beyond the last field: the form is left with Key)
  Stay,     // stay on the current field
  Leave,    // leave the form with Key
  RunNext,  // enter the chained form with Key, then decide by what it returns
};

enum class ResumeChange : uint8_t { Keep, Clear, SetThisForm };

struct Move {
  MoveKind Kind = MoveKind::Stay;
  int16_t Field = 0;
  int16_t Key = 0;
  ResumeChange Resume = ResumeChange::Keep;
};

// The move for the key that a field visit left.
Move MoveByKey(const MoveContext& context, int16_t key);

// The keys that, returned by a chained form, leave the form that chained it.
bool LeavesChain(int16_t key);

}  // namespace forms

// The hooks through which an application gives the generic form entry and
// browse their meaning. Each hook receives the form or browse definition
// number it acts for and dispatches on it.
//
// The program fills State().Hooks at start-up; tests install their own. A
// hook left empty behaves as "no application": every form may be left, every
// browse covers its whole file and shows no lines, a choice stores nothing.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace forms {

struct FormHooks {
  // Called whenever a form is left, with the key leaving it. 0 lets the form
  // be left; any other value sends the operator back to its first field.
  std::function<int16_t(int16_t form, int16_t key)> CheckForm;
  // Called once before a browse window opens. startKey: where the list
  // begins (first key >= it); endKey: the last key of the list, empty for no
  // limit. A result other than 0 ends the browse at once with that result.
  std::function<int16_t(int16_t definition, std::string& startKey, std::string& endKey)> BrowseRange;
  // The line text for the data file's current record (read from the file's
  // record area). An empty text leaves the record out of the list.
  std::function<std::string(int16_t definition)> BrowseLine;
  // After a choice: copies the chosen record's data into the form field that
  // opened the browse. It may change any of the three: a definition set to 0
  // runs the browse again, another field moves the form there. Called with
  // form 0 and field 0 after a chained browse: it must then store nothing.
  std::function<void(int16_t& definition, int16_t& form, int16_t& field)> BrowseChosen;
};

// The calls the generic code makes; each falls back to the behaviour without
// an application when its hook is empty.
int16_t CheckForm(int16_t form, int16_t key);
int16_t BrowseRange(int16_t definition, std::string& startKey, std::string& endKey);
std::string BrowseLine(int16_t definition);
void BrowseChosen(int16_t& definition, int16_t& form, int16_t& field);

}  // namespace forms

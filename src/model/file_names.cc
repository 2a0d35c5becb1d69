#include "model/file_names.h"

namespace scenarioc {

std::string line_source_name(const std::string& L) { return L + "_linea.txt"; }
std::string train_source_name(const std::string& L, const std::string& T) {
  return L + "_" + T + "-.txt";
}
std::string form_name(const std::string& L, const std::string& T,
                      const std::string& form) {
  return L + "_" + T + "_" + form;
}
std::string line_plan_name(const std::string& L) { return L + "_linea.dat"; }
std::string timetable_name(const std::string& L, const std::string& T) {
  return L + "_" + T + ".sim";
}
std::string route_name(const std::string& L, const std::string& T) {
  return L + "_" + T + ".dat";
}

}  // namespace scenarioc

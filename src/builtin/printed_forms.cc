#include "builtin/printed_forms.h"

#include "builtin/text_file.h"

namespace scenarioc {
namespace {

// The notes file is written empty: the marker stands in the first entry.
constexpr std::string_view kNotes[] = {kEndMarker};

// Modulo M. 3, the slow-down order, left blank for the dispatcher to fill in.
constexpr std::string_view kSlowDown[] = {
    "",
    "                               Modulo M. 3",
    "                           ORDINE DI RALLENTAMENTO",
    " ________________________________________________________________________________",
    "  Linea  xxxxxx xxxxxxx",
    "",
    "  Si ordina al macchinista del treno xxxxx di effettuare i seguenti rallentamenti",
    "  _______________________________________________________________________________",
    " |   |                            |Inizio dopo |          |         |            |",
    " | N.|      FRA LE STAZIONI       | il cippo   | Velocita'|Lunghezza|Prescrizioni|",
    " |   |   (o nelle Stazioni di)    |chilometrico|          |   metri | specifiche |",
    " |___|____________________________|____________|__________|_________|____________|",
    " |   |                            |            |          |         |            |",
    " |   |                            |            |          |         |            |",
    " |   |                            |            |          |         |            |",
    " |   |                            |            |          |         |            |",
    " |   |                            |            |          |         |            |",
    " |   |                            |            |          |         |            |",
    " |   |                            |            |          |         |            |",
    " |   |                            |            |          |         |            |",
    " |   |                            |            |          |         |            |",
    " |   |                            |            |          |         |            |",
    " |   |                            |            |          |         |            |",
    " |   |                            |            |          |         |            |",
    " |   |                            |            |          |         |            |",
    " |   |                            |            |          |         |            |",
    " |   |                            |            |          |         |            |",
    " |   |                            |            |          |         |            |",
    " |   |                            |            |          |         |            |",
    " |   |                            |            |          |         |            |",
    " |   |                            |            |          |         |            |",
    " |   |                            |            |          |         |            |",
    " |   |                            |            |          |         |            |",
    " |   |                            |            |          |         |            |",
    " |   |                            |            |          |         |            |",
    " |   |                            |            |          |         |            |",
    " |   |                            |            |          |         |            |",
    " |   |                            |            |          |         |            |",
    " |___|____________________________|____________|__________|_________|____________|",
    "",
    "              Prescrizioni specifiche",
    " A - Da rispettare con tutto il treno (per i treni viaggiatori)",
    " B - Interessa anche la stazione di.......",
    " D - Rallentamneto N. ... e N. ...  sono contigui",
    " C - Da rispettare dalle ore ....  alle ore ..... di tutti",
    "     i giorni esclusi i seguenti:.........",
    kEndMarker,
};

// The train sheet, left blank: the x runs are filled in by hand.
constexpr std::string_view kSheet[] = {
    "",
    "",
    "  ___________________                                               ______________",
    " |                   |                    SCHEDA                   |              |",
    " |   TRENO n.xxxxx   |                   da: xxxxxx                |    Vxxx C    |",
    " |___________________|                    a: xxxxxx                |     xxx%     |",
    "                                                                   |______________|",
    "  ___________________                ___________________",
    " |  CLASSIFICAZIONE  |              |  MASSA BLOCCATA   |       ",
    " |        xxx        |              |      xxxT         |",
    " |___________________|              |___________________|",
    "",
    "  ________________________________________________________________________________",
    " | Vel.| Vel.| Progr Km |  No |   Localita' di  Servizio   |     Orario     | Rec |",
    " | Lim.|Marc.|          |  Rs |                            |                |     |",
    " |_____|_____|__________|_____|____________________________|________________|_____|",
    " |     |     |          |     |                            |                |     |",
    " |     |     |          |     |                            |                |     |",
    " |     |     |          |     |                            |                |     |",
    " |     |     |          |     |                            |                |     |",
    " |     |     |          |     |                            |                |     |",
    " |     |     |          |     |                            |                |     |",
    " |     |     |          |     |                            |                |     |",
    " |     |     |          |     |                            |                |     |",
    " |     |     |          |     |                            |                |     |",
    " |     |     |          |     |                            |                |     |",
    " |     |     |          |     |                            |                |     |",
    " |     |     |          |     |                            |                |     |",
    " |     |     |          |     |                            |                |     |",
    " |     |     |          |     |                            |                |     |",
    " |     |     |          |     |                            |                |     |",
    " |     |     |          |     |                            |                |     |",
    " |     |     |          |     |                            |                |     |",
    " |     |     |          |     |                            |                |     |",
    " |     |     |          |     |                            |                |     |",
    " |     |     |          |     |                            |                |     |",
    " |     |     |          |     |                            |                |     |",
    " |     |     |          |     |                            |                |     |",
    " |     |     |          |     |                            |                |     |",
    " |     |     |          |     |                            |                |     |",
    " |     |     |          |     |                            |                |     |",
    " |     |     |          |     |                            |                |     |",
    " |     |     |          |     |                            |                |     |",
    " |     |     |          |     |                            |                |     |",
    " |     |     |          |     |                            |                |     |",
    " |     |     |          |     |                            |                |     |",
    " |     |     |          |     |                            |                |     |",
    " |_____|_____|__________|_____|____________________________|________________|_____|",
    "",
    kEndMarker,
};

}  // namespace

std::span<const std::string_view> notes_form_table() { return kNotes; }
std::span<const std::string_view> slow_down_form_table() { return kSlowDown; }
std::span<const std::string_view> train_sheet_table() { return kSheet; }

}  // namespace scenarioc

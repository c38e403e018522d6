#include "large_scenario.h"

#include <array>
#include <string>

#include "model/scenario_files.h"

namespace compila::large_scenario {
namespace {

std::string record(const std::string& keyword, std::initializer_list<long> values, const std::string& tail = "") {
  std::string line = keyword;
  for (long value : values) line += ", " + std::to_string(value);
  if (!tail.empty()) line += ", " + tail;
  return line + "\n";
}

// Curves every 1,600 m, their classes and sides cycling, lengths 50 to 750 m.
std::string curves() {
  std::string text = "[curve]\n";
  for (int i = 0; i < 600; ++i) {
    const std::string keyword = std::string("curva") + (i % 2 ? "d" : "s") + std::to_string(1 + i % 6);
    text += record(keyword, {800 + 1600L * i, 50 + 50L * (i % 15)});
  }
  return text;
}

std::string gradients() {
  std::string text;
  for (int i = 0; i < 300; ++i) text += record("pendenza", {3300L * (i + 1), (i * 7) % 31 - 15});
  return text;
}

// Mountain spans every 25 km, half a kilometre to 1.4 km long.
std::string mountains() {
  std::string text;
  for (int i = 0; i < 40; ++i) {
    const long start = 12'150 + 25'000L * i;
    text += record("montagna", {start, start + 500 + 100L * (i % 10), 11 + i % 2});
  }
  return text;
}

std::string speed_boards() {
  std::string text;
  for (int i = 0; i < 30; ++i)
    text += "indicatori_vmax,  " + std::to_string(20'500 + 33'000L * i) + ",  80,  80,  80,  0,  ,  ,  ,  0\n";
  for (int i = 0; i < 20; ++i)
    text += "cartello_indicatore,  " + std::to_string(41'100 + 48'000L * i) + ",   (Km." + std::to_string(41 + 48 * i) +
            ")\n";
  return text;
}

std::string line_text() {
  return "[generale]\n"
         "lunghezza percorso,    " +
         std::to_string(route_length_m) +
         "\n"
         "progressiva chilometrica uno,    0,    0,    0\n"
         "progressiva chilometrica due,    0,    0,    0\n"
         "progressiva chilometrica tre,    0,    0,    0\n"
         // Two records on one line keep the file within the folder's 1000
         // lines; the reader takes a line end and a comma alike.
         "sfondo uno,    0,    sfondo due,    1\n"
         "sfondo tre,    4650\n"
         "ripetizione segnali 4 codici,    0    ,0\n" +
         curves() + gradients() + mountains() + speed_boards() + "[fine]\n";
}

std::string train_text() {
  std::string text =
      "[generale]\nnumero vetture,    8\npercentuale massa frenata,    100\nsabbia,    0\n"
      "orologio,    6              0            0\n[aderenze]\naderenza,   0,    100\n[vel_limite]\n";
  text += "velocita,   0,    30\n";
  for (int i = 1; i < 60; ++i) text += record("velocita", {16'000L * i + 300}, std::to_string(60 + 10 * (i % 7)));
  text += "[stazioni]\n";
  for (int i = 0; i < 55; ++i) {
    const long at = 18'000L * i;
    const int minutes = 6 * 60 + 8 * i;
    text += "stazione,   " + std::to_string(at) + ", 26,  400,  0, 0, 0,  0,0,0,  0,0,0,   60,  " +
            std::to_string(minutes / 60) + "," + std::to_string(minutes % 60) + ", 0, STAZIONE " +
            std::to_string(i + 1) + "\n";
  }
  text += "[rallentamenti]\n";
  for (int i = 0; i < 30; ++i) text += record("rallentamento", {31'500 + 33'000L * i, 30, 1000, 1, 1, 0});
  text += "[segnali]\n";
  for (int i = 0; i < 330; ++i) text += record("segnale", {10'000 + 3'000L * i, 1 + i % 2, 4, 1, 0, 0, 0, 0, 0, 0, 0});
  return text + "[codici]\n[fine]\n";
}

std::string with_cr_lf(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

}  // namespace

memory_scenario_files::files folder_files() {
  // In the order of scenario_files.
  const std::array<std::string, scenario_files.size()> texts{line_text(), train_text(),
                                                             "Prova della linea piu lunga.\n",
                                                             "ORDINE DI RALLENTAMENTO\n", "SCHEDA TRENO 40517\n"};
  memory_scenario_files::files files{
      {std::string(scenario_names_file), "line_name=Corvalia_Brunasco-Alpestra\ntrain_number=40517\n"}};
  for (std::size_t f = 0; f < scenario_files.size(); ++f) files[std::string(scenario_files[f].folder_name)] = texts[f];
  return files;
}

std::string line_source() { return with_cr_lf(line_text()); }
std::string train_source() { return with_cr_lf(train_text()); }

}  // namespace compila::large_scenario

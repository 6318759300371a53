#include "reports/chart_export.h"

#include <algorithm>
#include <cstddef>
#include <optional>
#include <string_view>

#include "core/text_format.h"
#include "platform/gbk.h"

namespace quillet {
namespace {

// Geometry, in pixels.
constexpr double kBoxWidth = 26;
constexpr double kCharHeight = 17;
constexpr double kBoxPadding = 7;
constexpr double kWifeGap = 8;      // between a husband's box and his wife's
constexpr double kSiblingGap = 10;  // between the units of brothers and sisters
constexpr double kCousinGap = 22;   // between units of different fathers
constexpr double kRowGap = 44;      // room for the lines between rows
constexpr double kLeftMargin = 70;  // the row labels stand here
constexpr double kRightMargin = 20;
constexpr double kTopMargin = 96;  // title and legend
constexpr double kBottomMargin = 20;

constexpr const char* kFontFamily = "'WenQuanYi Micro Hei', 'Noto Sans CJK SC', SimSun, sans-serif";

// A text of the program's own (GBK) for the picture.
std::string utf8(std::string_view gbk) {
  std::optional<std::string> text = platform::gbkToUtf8(gbk);
  return text ? *text : std::string();
}

std::string escapeXml(std::string_view text) {
  std::string escaped;
  for (char c : text) {
    switch (c) {
      case '&':
        escaped += "&amp;";
        break;
      case '<':
        escaped += "&lt;";
        break;
      case '>':
        escaped += "&gt;";
        break;
      case '"':
        escaped += "&quot;";
        break;
      case '\'':
        escaped += "&apos;";
        break;
      default:
        // XML 1.0 allows no control character but tab, line feed and carriage return.
        escaped +=
            (static_cast<unsigned char>(c) < 0x20 && c != '\t' && c != '\n' && c != '\r') ? ' ' : c;
    }
  }
  return escaped;
}

std::string number(double value) {
  std::string text;
  appendFormat(text, "%.1f", value);
  return text;
}

// The characters of a person's name without the key's padding, UTF-8.
std::vector<std::string> nameCharacters(const Person& person) {
  std::string_view name = keyText(person.name);
  while (!name.empty() && name.back() == ' ') name.remove_suffix(1);
  return utf8Characters(name);
}

// "1783-02-16" for a valid yyyymmdd, else empty.
std::string displayDate(std::string_view yyyymmdd) {
  if (!isCalendarDate(yyyymmdd)) return {};
  std::string text(yyyymmdd.substr(0, 4));
  text += '-';
  text += yyyymmdd.substr(4, 2);
  text += '-';
  text += yyyymmdd.substr(6, 2);
  return text;
}

// Walker's tidy tree in the linear-time form of Buchheim, Juenger and Leipert (2002), on the
// breadth-first clan. The first walk runs over the clan in reverse breadth-first order, which
// visits every child before its father; the second in breadth-first order. Neither recurses, so
// the depth of the clan is not bounded by the call stack.
class TidyTree {
 public:
  TidyTree(const std::vector<ClanMember>& clan, std::vector<double> widths)
      : clan_(clan),
        width_(std::move(widths)),
        prelim_(clan.size(), 0),
        mod_(clan.size(), 0),
        shift_(clan.size(), 0),
        change_(clan.size(), 0),
        thread_(clan.size(), -1),
        ancestor_(clan.size()),
        number_(clan.size(), 1) {
    for (std::size_t v = 0; v < clan.size(); ++v) {
      ancestor_[v] = static_cast<int>(v);
      for (std::size_t k = 0; k < clan[v].children.size(); ++k) {
        number_[clan[v].children[k]] = static_cast<int>(k) + 1;
      }
    }
  }

  // Centre x of every unit, relative to the root at 0.
  std::vector<double> centres() {
    std::vector<double> x(clan_.size(), 0);
    if (clan_.empty()) return x;
    for (std::size_t v = clan_.size(); v-- > 0;) layoutChildren(static_cast<int>(v));
    place(0);
    std::vector<double> modSum(clan_.size(), 0);  // mods of the proper ancestors
    for (std::size_t v = 0; v < clan_.size(); ++v) {
      x[v] = prelim_[v] + modSum[v];
      for (int child : clan_[v].children) modSum[child] = modSum[v] + mod_[v];
    }
    return x;
  }

 private:
  const std::vector<int>& children(int v) const { return clan_[v].children; }
  int parent(int v) const { return clan_[v].parent; }
  int nextLeft(int v) const { return children(v).empty() ? thread_[v] : children(v).front(); }
  int nextRight(int v) const { return children(v).empty() ? thread_[v] : children(v).back(); }
  int leftSibling(int v) const { return number_[v] > 1 ? children(parent(v))[number_[v] - 2] : -1; }
  double separation(int left, int right) const {
    return (width_[left] + width_[right]) / 2 +
           (parent(left) == parent(right) ? kSiblingGap : kCousinGap);
  }

  // Places the children of `v` side by side, each as close to its left neighbours as the
  // contours allow, then applies the shifts that spread the children in between.
  void layoutChildren(int v) {
    if (children(v).empty()) return;
    int defaultAncestor = children(v).front();
    for (int w : children(v)) {
      place(w);
      defaultAncestor = apportion(w, defaultAncestor);
    }
    double totalShift = 0, totalChange = 0;
    for (auto w = children(v).rbegin(); w != children(v).rend(); ++w) {
      prelim_[*w] += totalShift;
      mod_[*w] += totalShift;
      totalChange += change_[*w];
      totalShift += shift_[*w] + totalChange;
    }
  }

  // The preliminary x of `v`: next to its left sibling, or over the middle of its children.
  void place(int v) {
    double midpoint =
        children(v).empty() ? 0 : (prelim_[children(v).front()] + prelim_[children(v).back()]) / 2;
    int left = leftSibling(v);
    if (left >= 0) {
      prelim_[v] = prelim_[left] + separation(left, v);
      mod_[v] = prelim_[v] - midpoint;
    } else {
      prelim_[v] = midpoint;
    }
  }

  int apportion(int v, int defaultAncestor) {
    int w = leftSibling(v);
    if (w < 0) return defaultAncestor;
    int vir = v, vor = v, vil = w, vol = children(parent(v)).front();
    double sir = mod_[vir], sor = mod_[vor], sil = mod_[vil], sol = mod_[vol];
    while (nextRight(vil) >= 0 && nextLeft(vir) >= 0) {
      vil = nextRight(vil);
      vir = nextLeft(vir);
      vol = nextLeft(vol);
      vor = nextRight(vor);
      ancestor_[vor] = v;
      double shift = (prelim_[vil] + sil) - (prelim_[vir] + sir) + separation(vil, vir);
      if (shift > 0) {
        moveSubtree(ancestorOf(vil, v, defaultAncestor), v, shift);
        sir += shift;
        sor += shift;
      }
      sil += mod_[vil];
      sir += mod_[vir];
      sol += mod_[vol];
      sor += mod_[vor];
    }
    if (nextRight(vil) >= 0 && nextRight(vor) < 0) {
      thread_[vor] = nextRight(vil);
      mod_[vor] += sil - sor;
    }
    if (nextLeft(vir) >= 0 && nextLeft(vol) < 0) {
      thread_[vol] = nextLeft(vir);
      mod_[vol] += sir - sol;
      defaultAncestor = v;
    }
    return defaultAncestor;
  }

  int ancestorOf(int vil, int v, int defaultAncestor) const {
    return parent(ancestor_[vil]) == parent(v) ? ancestor_[vil] : defaultAncestor;
  }

  void moveSubtree(int left, int right, double shift) {
    double subtrees = number_[right] - number_[left];
    change_[right] -= shift / subtrees;
    shift_[right] += shift;
    change_[left] += shift / subtrees;
    prelim_[right] += shift;
    mod_[right] += shift;
  }

  const std::vector<ClanMember>& clan_;
  std::vector<double> width_, prelim_, mod_, shift_, change_;
  std::vector<int> thread_, ancestor_, number_;
};

int wifeCount(const ClanMember& member) {
  return (member.wives[0] != nullptr ? 1 : 0) + (member.wives[1] != nullptr ? 1 : 0);
}

// The characters a box shows: the name, or 某 (某氏) for a living person left out.
std::vector<std::string> shownCharacters(const Person& person, bool wife, LivingPersons living) {
  if (person.alive != 'n' && living == LivingPersons::kHide) {
    return wife ? std::vector<std::string>{utf8("某"), utf8("氏")}
                : std::vector<std::string>{utf8("某")};
  }
  return nameCharacters(person);
}

void appendBox(std::string& svg, const ChartBox& box, LivingPersons living) {
  const Person& person = *box.person;
  bool dead = person.alive == 'n';
  std::vector<std::string> characters = shownCharacters(person, box.wife, living);
  std::string name;
  for (const std::string& c : characters) name += c;

  std::string title = name;
  std::string born = dead || living == LivingPersons::kShow
                         ? displayDate(dateText(person.birthDate))
                         : std::string();
  if (!born.empty()) title += " " + utf8("生于 ") + born;
  if (dead) {
    std::string died = person.deathDate ? displayDate(dateText(*person.deathDate)) : "";
    title += " " + (died.empty() ? utf8("已故") : utf8("卒于 ") + died);
  }

  svg += "<g class=\"";
  svg += box.wife ? "wife" : "member";
  svg += dead ? " dead\">" : " living\">";
  svg += "<title>" + escapeXml(title) + "</title>";
  svg += "<rect x=\"" + number(box.x) + "\" y=\"" + number(box.y) + "\" width=\"" +
         number(box.width) + "\" height=\"" + number(box.height) + "\" rx=\"3\" fill=\"";
  svg += dead ? "#d4d4d4" : "#ffffff";
  svg += "\" stroke=\"";
  svg += box.wife ? "#a63a50" : "#333333";
  svg += "\" stroke-width=\"1.3\"";
  if (dead) svg += " stroke-dasharray=\"4 2\"";
  svg += "/>";
  double centre = box.x + box.width / 2;
  svg += "<text text-anchor=\"middle\" font-size=\"15\">";
  for (std::size_t i = 0; i < characters.size(); ++i) {
    double baseline = box.y + kBoxPadding + kCharHeight * static_cast<double>(i + 1) - 3;
    svg += "<tspan x=\"" + number(centre) + "\" y=\"" + number(baseline) + "\">" +
           escapeXml(characters[i]) + "</tspan>";
  }
  svg += "</text></g>\n";
}

void appendLegend(std::string& svg) {
  struct Entry {
    const char* label;
    bool wife;
    bool dead;
  };
  static constexpr Entry kEntries[] = {
      {"在世", false, false}, {"已故", false, true}, {"配偶", true, false}};
  double x = kLeftMargin;
  for (const Entry& entry : kEntries) {
    svg += "<rect x=\"" + number(x) + "\" y=\"54\" width=\"22\" height=\"16\" rx=\"3\" fill=\"";
    svg += entry.dead ? "#d4d4d4" : "#ffffff";
    svg += "\" stroke=\"";
    svg += entry.wife ? "#a63a50" : "#333333";
    svg += "\" stroke-width=\"1.3\"";
    if (entry.dead) svg += " stroke-dasharray=\"4 2\"";
    svg += "/><text x=\"" + number(x + 28) + "\" y=\"67\" font-size=\"14\">" +
           escapeXml(utf8(entry.label)) + "</text>\n";
    x += 90;
  }
}

}  // namespace

ChartLayout layoutChart(const FamilyTree& tree, LivingPersons living) {
  ChartLayout layout;
  layout.living = living;
  layout.clan = collectClan(tree);
  const std::vector<ClanMember>& clan = layout.clan;
  if (clan.empty()) return layout;

  // Boxes are as tall as the longest name needs, and never shorter than three characters.
  std::size_t longest = 3;
  int rows = 1;
  for (const ClanMember& member : clan) {
    rows = std::max(rows, member.depth + 1);
    longest = std::max(longest, nameCharacters(*member.person).size());
    for (const Person* wife : member.wives) {
      if (wife != nullptr) longest = std::max(longest, nameCharacters(*wife).size());
    }
  }
  double boxHeight = kCharHeight * static_cast<double>(longest) + 2 * kBoxPadding;
  double rowPitch = boxHeight + kRowGap;

  std::vector<double> widths(clan.size());
  for (std::size_t v = 0; v < clan.size(); ++v) {
    int wives = wifeCount(clan[v]);
    widths[v] = kBoxWidth * (1 + wives) + kWifeGap * wives;
  }
  std::vector<double> centres = TidyTree(clan, widths).centres();
  double leftmost = 0, rightmost = 0;
  for (std::size_t v = 0; v < clan.size(); ++v) {
    leftmost = std::min(leftmost, centres[v] - widths[v] / 2);
    rightmost = std::max(rightmost, centres[v] + widths[v] / 2);
  }

  layout.memberBox.resize(clan.size());
  for (std::size_t v = 0; v < clan.size(); ++v) {
    double x = centres[v] - widths[v] / 2 - leftmost + kLeftMargin;
    double y = kTopMargin + rowPitch * clan[v].depth;
    int member = static_cast<int>(v);
    layout.memberBox[v] = static_cast<int>(layout.boxes.size());
    layout.boxes.push_back(
        ChartBox{clan[v].person, false, member, clan[v].depth, x, y, kBoxWidth, boxHeight});
    for (const Person* wife : clan[v].wives) {
      if (wife == nullptr) continue;
      x += kBoxWidth + kWifeGap;
      layout.boxes.push_back(
          ChartBox{wife, true, member, clan[v].depth, x, y, kBoxWidth, boxHeight});
    }
  }
  layout.width = rightmost - leftmost + kLeftMargin + kRightMargin;
  layout.height = kTopMargin + rowPitch * rows - kRowGap + kBottomMargin;
  return layout;
}

std::string chartSvg(const ChartLayout& layout) {
  std::string svg = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
  svg += "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + number(layout.width) +
         "\" height=\"" + number(layout.height) + "\" viewBox=\"0 0 " + number(layout.width) + " " +
         number(layout.height) + "\" font-family=\"" + escapeXml(kFontFamily) + "\">\n";
  svg += "<rect width=\"100%\" height=\"100%\" fill=\"#fbf8f0\"/>\n";
  if (layout.clan.empty()) return svg + "</svg>\n";

  ExportName rootName = exportName(*layout.clan.front().person);
  svg += "<text x=\"" + number(kLeftMargin) + "\" y=\"36\" font-size=\"24\" font-weight=\"bold\">" +
         escapeXml(rootName.surname + utf8("氏世系图")) + "</text>\n";
  appendLegend(svg);

  // Row labels: the generation number as the program shows it (第4代), that is the generation
  // digit of the row's first member; a row whose first member holds no digit is numbered by its
  // depth below the root.
  const std::vector<ChartBox>& boxes = layout.boxes;
  double boxHeight = boxes.front().height;
  int lastRow = -1;
  for (const ChartBox& box : boxes) {
    if (box.row <= lastRow) continue;
    lastRow = box.row;
    std::string label;
    char generation = box.person->generation;
    if (generation >= '0' && generation <= '9') {
      appendFormat(label, "第%c代", generation);
    } else {
      appendFormat(label, "第%d代", box.row);
    }
    svg += "<text x=\"12\" y=\"" + number(box.y + boxHeight / 2 + 5) +
           "\" font-size=\"14\" fill=\"#555555\">" + escapeXml(utf8(label)) + "</text>\n";
  }

  // Lines: a father's box down to a bar, the bar across, down to each child in chain order; and
  // a short line from each husband to his wives.
  svg += "<g stroke=\"#555555\" stroke-width=\"1.2\" fill=\"none\">\n";
  for (std::size_t v = 0; v < layout.clan.size(); ++v) {
    const ClanMember& member = layout.clan[v];
    const ChartBox& father = boxes[layout.memberBox[v]];
    double middle = father.y + father.height / 2;
    for (std::size_t k = 1; k <= static_cast<std::size_t>(wifeCount(member)); ++k) {
      const ChartBox& wife = boxes[layout.memberBox[v] + k];
      svg += "<path d=\"M" + number(father.x + father.width) + " " + number(middle) + "H" +
             number(wife.x) + "\"/>\n";
    }
    if (member.children.empty()) continue;
    double fatherX = father.x + father.width / 2;
    double bar = father.y + father.height + kRowGap / 2;
    double first = fatherX, last = fatherX;
    std::string drops;
    for (int child : member.children) {
      const ChartBox& box = boxes[layout.memberBox[child]];
      double childX = box.x + box.width / 2;
      first = std::min(first, childX);
      last = std::max(last, childX);
      drops += "M" + number(childX) + " " + number(bar) + "V" + number(box.y);
    }
    svg += "<path d=\"M" + number(fatherX) + " " + number(father.y + father.height) + "V" +
           number(bar) + "M" + number(first) + " " + number(bar) + "H" + number(last) + drops +
           "\"/>\n";
  }
  svg += "</g>\n";

  for (const ChartBox& box : boxes) appendBox(svg, box, layout.living);
  svg += "</svg>\n";
  return svg;
}

bool writeChartSvg(const FamilyTree& tree, std::string& out, LivingPersons living) {
  out.clear();
  ChartLayout layout = layoutChart(tree, living);
  if (layout.clan.empty()) return false;
  out = chartSvg(layout);
  return true;
}

}  // namespace quillet

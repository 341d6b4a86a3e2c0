#include "render/chart_style.hpp"

#include <iterator>

#include "render/output.hpp"

namespace orvane_cli {
namespace {

const SetStyle kSetStyles[] = {
    {{"#d62728", "#2ca02c", "#1f77b4"}, "", "circle"},
    {{"#ff7f0e", "#8c564b", "#9467bd"}, "6 3", "square"},
    {{"#e377c2", "#17becf", "#393b79"}, "2 2", "diamond"},
    {{"#843c39", "#bcbd22", "#7f7f7f"}, "8 3 2 3", "triangle"},
};

}  // namespace

const SetStyle& StyleOfSet(std::size_t index) { return kSetStyles[index % std::size(kSetStyles)]; }

double TextWidth(const std::string& utf8) {
    double characters = 0;
    for (const char c : utf8) characters += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    return characters * 7.2 + 6;
}

std::string Escape(const std::string& text) {
    std::string out;
    for (const char c : text) {
        if (c == '<')
            out += "&lt;";
        else if (c == '>')
            out += "&gt;";
        else if (c == '&')
            out += "&amp;";
        else if (c == '"')
            out += "&quot;";
        else
            out += c;
    }
    return out;
}

std::string Num(double value) { return Decimal(value, 1); }

std::string Marker(const char* shape, double cx, double cy, const char* colour) {
    const std::string fill = "\" fill=\"" + std::string(colour) + "\"/>\n";
    if (std::string(shape) == "circle") {
        return "<circle cx=\"" + Num(cx) + "\" cy=\"" + Num(cy) + "\" r=\"2.5" + fill;
    }
    if (std::string(shape) == "square") {
        return "<rect x=\"" + Num(cx - 2.5) + "\" y=\"" + Num(cy - 2.5) + "\" width=\"5\" height=\"5" + fill;
    }
    const std::string points = std::string(shape) == "diamond"
                                   ? Num(cx) + "," + Num(cy - 3.5) + " " + Num(cx + 3.5) + "," + Num(cy) +
                                         " " + Num(cx) + "," + Num(cy + 3.5) + " " + Num(cx - 3.5) + "," +
                                         Num(cy)
                                   : Num(cx) + "," + Num(cy - 3.5) + " " + Num(cx + 3.5) + "," +
                                         Num(cy + 2.5) + " " + Num(cx - 3.5) + "," + Num(cy + 2.5);
    return "<polygon points=\"" + points + fill;
}

std::string Label(const std::string& id, const Box& box, const std::string& text, const char* colour) {
    return "<rect class=\"label-box\" id=\"" + id + "-box\" x=\"" + Num(box.x) + "\" y=\"" + Num(box.y) +
           "\" width=\"" + Num(box.width) + "\" height=\"" + Num(box.height) +
           "\" fill=\"white\" fill-opacity=\"0.85\"/>\n<text id=\"" + id + "\" x=\"" +
           Num(box.x + box.width / 2) + "\" y=\"" + Num(box.y + box.height - 4) +
           "\" text-anchor=\"middle\" fill=\"" + colour + "\">" + Escape(text) + "</text>\n";
}

std::string DashAttribute(const SetStyle& style) {
    return *style.dash != 0 ? " stroke-dasharray=\"" + std::string(style.dash) + "\"" : "";
}

}  // namespace orvane_cli

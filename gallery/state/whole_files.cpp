#include "state/whole_files.h"

#include "imaging/size_header.h"

bool is_whole(std::string_view name, std::string_view bytes) {
    if (name.ends_with(".html")) return bytes.ends_with("</html>\r\n");
    if (name.ends_with(".jpg")) return bytes.starts_with("\xFF\xD8") && bytes.ends_with("\xFF\xD9");
    if (name.ends_with(".ppm")) return read_size_header(bytes).has_value();
    return !bytes.empty();
}

// The program's result-row pattern in UTF-16, as the engine's tests and its
// benchmark run it (with an icon address of their own).
#pragma once

#include <string>

namespace engine_fixtures {

inline const std::u16string kIconAddress = u"http://static.example.test/images/link.png";

inline std::u16string ResultRowPattern()
{
    return u"\t<div class=\"r\">\r\n"
           u"\t\t\t\t<a href=\"(.*?)\" target=\"_blank\" class=\"link\">\r\n"
           u"\t\t\t\t\t<h5 class=\"h\">(.*?)</h5>\r\n"
           u"\t\t\t\t</a>\r\n"
           u"\t\t\t\t<div>\r\n"
           u"\t\t\t\t\t<span style=\"padding-right: 10px; vertical-align: middle;\">\u6536\u5f55\u65f6\u95f4\uff1a<span\r\n"
           u"\t\t\t\t\t\tclass=\"prop_val\">(.*?)</span></span> <span\r\n"
           u"\t\t\t\t\t\tstyle=\"padding-right: 10px; vertical-align: middle;\">\u5927\u5c0f\uff1a<span\r\n"
           u"\t\t\t\t\t\tclass=\"prop_val\">(.*?)</span></span> <span\r\n"
           u"\t\t\t\t\t\tstyle=\"padding-right: 10px; vertical-align: middle;\">\u6587\u4ef6\u6570\uff1a<span\r\n"
           u"\t\t\t\t\t\tclass=\"prop_val\">(.*?)</span></span> <a\r\n"
           u"\t\t\t\t\t\thref=\"(.*?)\">\r\n"
           u"\t\t\t\t\t\t<img src=\"" +
           kIconAddress +
           u"\"\r\n"
           u"\t\t\t\t\t\tstyle=\"vertical-align: middle;\" alt=\"\u78c1\u529b\u94fe\u63a5\" /> <span\r\n"
           u"\t\t\t\t\t\tstyle=\"vertical-align: middle; margin-left: 2px;\">\u78c1\u529b\u94fe\u63a5</span>\r\n"
           u"\t\t\t\t\t</a>\r\n"
           u"\t\t\t\t</div>\r\n"
           u"\t\t\t</div>";
}

}  // namespace engine_fixtures

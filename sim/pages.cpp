#include "sim/pages.h"

#include "sim/accounts.h"

namespace sim {
namespace {

const char* const kHead =
    "<!DOCTYPE html>\n<html lang=\"zh-CN\">\n<head>\n<meta charset=\"utf-8\">\n"
    "<title>直通车 - 推广平台</title>\n"
    // The platform's pages sit in a centred column, which the login window's wide browser relies on.
    "<style>body{font-family:sans-serif;background:#f5f5f5;margin:0}"
    "main{width:420px;margin:40px auto;padding:24px 32px;background:#fff;border:1px solid #ddd}"
    "h1{font-size:20px;color:#f40}label{display:inline-block;width:80px}"
    "input{width:240px;padding:4px}button{width:120px;padding:6px;margin-left:80px}</style>\n"
    "</head>\n<body>\n<main>\n";

}  // namespace

std::string loginPage(std::string_view error) {
    std::string page = kHead;
    page += "<h1>直通车推广平台 · 卖家登录</h1>\n";
    if (!error.empty())
        page.append("<p id=\"loginError\" style=\"color:#c00\">").append(error).append("</p>\n");
    page +=
        "<form id=\"loginForm\" method=\"post\" action=\"/login\">\n"
        "<p><label for=\"username\">账户名：</label><input id=\"username\" name=\"username\" "
        "type=\"text\"></p>\n"
        "<p><label for=\"password\">密码：</label><input id=\"password\" name=\"password\" "
        "type=\"password\"></p>\n"
        "<p><button id=\"submit\" type=\"submit\">登录</button></p>\n"
        "</form>\n";
    page.append("<p id=\"demoAccount\">演示账户：")
        .append(kDemoUser)
        .append("　密码：")
        .append(kDemoPassword);
    page += "</p>\n</main>\n</body>\n</html>\n";
    return page;
}

std::string sellerPage(std::string_view seller) {
    std::string page = kHead;
    page += "<h1>直通车推广平台</h1>\n";
    page.append("<p>您好，<span id=\"sellerName\">").append(seller).append("</span>！您已登录。</p>\n");
    page += "</main>\n</body>\n</html>\n";
    return page;
}

std::string errorJson(std::string_view code, std::string_view message) {
    std::string json = "{\"code\":\"";
    json.append(code).append("\",\"msg\":\"").append(message).append("\",\"result\":null}");
    return json;
}

std::string loginInfoJson(std::string_view seller, std::string_view token, TokenShape shape) {
    std::string json = "{\"code\":\"200\",\"msg\":\"\",\"result\":{\"nickName\":\"";
    json.append(seller).append("\",\"memberId\":\"2088000123\"");
    if (shape == TokenShape::missing) return json + ",\"userType\":\"1\"}}";
    json.append(",\"token\":\"").append(token).append("\"");
    if (shape == TokenShape::followed) json += ",\"userType\":\"1\"";
    return json + "}}";
}

std::string serverErrorPage() {
    std::string page = kHead;
    page += "<h1>500 服务器内部错误</h1>\n<p>系统繁忙，请稍后再试。</p>\n</body>\n</html>\n";
    return page;
}

}  // namespace sim

"""The six household rosters: who lives in or belongs to each house in the novel.

A roster name is a name key (two or three characters); a person appears in one roster only.
Names of four or more characters do not fit: the novel's shorter form is used, or the person is
left out. The clan's own members appear under the names the household calls them by (贾母 for
史太君). 林黛玉 lives in 荣国府 as 贾母's granddaughter and is listed there.
"""

from collections import namedtuple

House = namedtuple("House", "file_name caption")

NING = House("宁.txt", "宁国府")
RONG = House("荣.txt", "荣国府")
SHI = House("史.txt", "史府")
WANG = House("王.txt", "王府")
XUE = House("薛.txt", "薛府")
OTHER = House("其它.txt", "其它")

ROSTERS = [
    (NING, [
        "贾敬", "贾珍", "尤氏", "贾蓉", "秦可卿", "许氏", "贾惜春", "贾蔷", "佩凤",
        "偕鸾", "文花", "尤老娘", "尤三姐", "焦大", "赖二", "来升", "俞禄", "瑞珠",
        "宝珠", "银蝶", "入画", "彩屏", "贾蓁",
    ]),
    (RONG, [
        "贾母", "贾赦", "邢夫人", "嫣红", "秋桐", "贾政", "王夫人", "赵姨娘", "周姨娘",
        "贾珠", "李纨", "贾兰", "贾琏", "王熙凤", "尤二姐", "平儿", "巧姐", "丰儿",
        "贾元春", "抱琴", "贾迎春", "司棋", "绣橘", "贾探春", "侍书", "翠墨", "贾宝玉",
        "林黛玉", "紫鹃", "雪雁", "袭人", "晴雯", "麝月", "秋纹", "碧痕", "茜雪",
        "小红", "四儿", "芳官", "藕官", "蕊官", "龄官", "鸳鸯", "琥珀", "珍珠",
        "玻璃", "傻大姐", "金钏", "玉钏", "彩云", "彩霞", "贾环", "贾琮", "李嬷嬷",
        "赖嬷嬷", "赖大", "林之孝", "周瑞", "茗烟", "李贵", "兴儿", "旺儿", "善姐",
        "柳五儿",
    ]),
    (SHI, [
        "史湘云", "翠缕", "史鼐", "史鼎", "卫若兰",
    ]),
    (WANG, [
        "王子腾", "王子胜", "王仁", "王成", "王狗儿", "板儿", "青儿",
    ]),
    (XUE, [
        "薛姨妈", "薛蟠", "薛宝钗", "薛蝌", "薛宝琴", "香菱", "夏金桂", "宝蟾", "莺儿",
        "文杏", "同喜", "同贵",
    ]),
    (OTHER, [
        "林如海", "贾雨村", "甄士隐", "封氏", "娇杏", "冷子兴", "刘姥姥", "妙玉",
        "邢岫烟", "邢德全", "李婶", "李纹", "李绮", "秦业", "秦钟", "智能儿", "北静王",
        "蒋玉菡", "柳湘莲", "冯紫英", "孙绍祖", "甄宝玉", "包勇", "倪二", "卜世仁",
        "张道士", "马道婆", "金荣", "胡氏", "喜鸾", "四姐儿", "戴权", "詹光", "贾代儒", "贾芸", "贾芹",
        "贾菌", "贾菖", "贾菱", "贾瑞", "金氏", "贾璜",
    ]),
]


def check(rosters, name_key):
    """Raises when a name does not fit a 6-byte field or a person is listed twice."""
    seen = {}
    for house, names in rosters:
        for name in names:
            name_key(name)
            if name in seen:
                raise ValueError(f"{name}: in {seen[name]} and {house.file_name}")
            seen[name] = house.file_name

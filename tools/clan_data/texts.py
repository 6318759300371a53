"""The free texts: number.txt (statistics), most.txt (superlatives) and the person text files.

number.txt and the data-based lines of most.txt are worked out from the tables, so they agree
with home.txt and the rosters whenever the data is regenerated.
"""

INDENT = "    "


def number_lines(figures, rosters):
    lines = ["", "人物统计", "", "一、各府人员(据各府人员名单)"]
    for house, names in rosters:
        lines.append(f"{INDENT}{house.caption}：{len(names)}人")
    lines.append(f"{INDENT}合计：{sum(len(names) for _, names in rosters)}人")
    lines += ["", "二、贾氏家谱(据家谱文件)"]
    lines.append(f"{INDENT}家谱人数：{figures['persons']}人")
    lines.append(f"{INDENT}本族成员：{figures['members']}人")
    lines.append(f"{INDENT}娶入之妻：{figures['wives']}人")
    lines.append(f"{INDENT}代数：{figures['generations']}代")
    for generation, count in enumerate(figures["by_generation"]):
        lines.append(f"{INDENT}第{generation}代：{count}人")
    lines.append(f"{INDENT}男：{figures['men']}人")
    lines.append(f"{INDENT}女：{figures['women']}人")
    lines.append(f"{INDENT}本族女儿：{figures['daughters']}人")
    lines.append(f"{INDENT}健在：{figures['living']}人")
    lines.append(f"{INDENT}已故：{figures['dead']}人")
    return lines


def _age(birth, death):
    """Whole years from one yyyymmdd date to another."""
    years = int(death[:4]) - int(birth[:4])
    return years - 1 if death[4:] < birth[4:] else years


def _date(text):
    return f"{text[:4]}年{int(text[4:6])}月{int(text[6:])}日"


def most_lines(persons):
    """Superlatives: those of the genealogy computed from it, then those of the story."""
    people = list(persons.values())
    dead = [p for p in people if p.death is not None]
    living = [p for p in people if p.death is None]
    # Ties go to the first in table order, which is stable from one run to the next.
    longest = max(dead, key=lambda p: _age(p.birth, p.death))
    shortest = min(dead, key=lambda p: _age(p.birth, p.death))
    eldest = min(living, key=lambda p: p.birth)
    youngest = max(people, key=lambda p: p.birth)
    most_children = max(people, key=lambda p: len(p.children))
    deepest = max(p.generation for p in people)

    return [
        "",
        "贾府之最",
        "",
        "家谱之最：",
        f"{INDENT}最长寿者：{longest.name}，享年{_age(longest.birth, longest.death)}岁",
        f"{INDENT}最早夭亡者：{shortest.name}，{_age(shortest.birth, shortest.death)}岁而亡",
        f"{INDENT}最年长的健在者：{eldest.name}，生于{_date(eldest.birth)}",
        f"{INDENT}最年幼者：{youngest.name}，生于{_date(youngest.birth)}",
        f"{INDENT}子女最多者：{most_children.name}，有子女{len(most_children.children)}人",
        f"{INDENT}家谱最深一代：第{deepest}代",
        "",
        "书中之最：",
        f"{INDENT}地位最尊者：贾元春，才选凤藻宫，加封贤德妃",
        f"{INDENT}辈分最高的女眷：史太君，府中上下称老祖宗",
        f"{INDENT}最会理家者：王熙凤，协理宁国府，威重令行",
        f"{INDENT}最痴情者：贾宝玉，衔玉而生，终悬崖撒手",
        f"{INDENT}最有诗才者：林黛玉，魁夺菊花诗",
        f"{INDENT}最识大体者：薛宝钗，随分从时，人谓藏愚",
        f"{INDENT}最敢直言者：晴雯，撕扇、补裘，身为下贱，心比天高",
        f"{INDENT}最忠心的老仆：焦大，从死人堆里背出主子",
        f"{INDENT}最会说笑者：刘姥姥，三进荣国府",
        f"{INDENT}最豪爽者：史湘云，醉眠芍药裀",
        f"{INDENT}最有才干的庶出女儿：贾探春，兴利除宿弊",
        f"{INDENT}最清高者：妙玉，栊翠庵中品茶",
        f"{INDENT}最盛大的场面：元妃省亲，建大观园以迎銮驾",
        f"{INDENT}最盛大的丧事：秦可卿之丧，贾珍尽其所有",
    ]


# Person text files: one line of GBK each, named by the person's name key plus ".txt".
PERSON_TEXTS = [
    ("贾宝玉", "荣国府贾政与王夫人之次子，衔玉而生，故名宝玉。自幼为祖母史太君所钟爱，"
     "住大观园怡红院，厌弃仕途经济，与林黛玉情意相投。后奉父母之命娶薛宝钗，"
     "中乡魁后出家，不知所终。"),
    ("林黛玉", "姑苏林如海与贾敏之女，母亲早逝，寄居外祖母家荣国府，住潇湘馆。"
     "聪慧多才，工诗善感，与贾宝玉两情相悦，终因婚事成空，泪尽而逝。"),
    ("薛宝钗", "金陵薛家之女，薛姨妈所生，薛蟠之妹。随母兄进京，住梨香院，后居蘅芜苑。"
     "端庄稳重，博学能诗，佩金锁，与贾宝玉有金玉良缘之说，终嫁宝玉。"),
    ("薛蟠", "薛姨妈之子，薛宝钗之兄，人称呆霸王。为争香菱打死冯渊，倚势脱罪，"
     "后娶夏金桂，家宅不宁，又因酒后伤人入狱。"),
    ("史湘云", "史太君的侄孙女，父母早亡，由叔婶抚养。心直口快，豪爽洒脱，"
     "醉眠芍药裀传为佳话，后嫁卫若兰。"),
    ("妙玉", "苏州人氏，带发修行，入住大观园栊翠庵。清高孤洁，精于茶道，"
     "自称槛外人，后遭劫而去。"),
    ("王熙凤", "金陵王家之女，王夫人的内侄女，贾琏之妻，人称凤姐。"
     "精明强干，协理宁国府，掌管荣国府家务，机关算尽，抄家后病逝。"),
    ("李纨", "金陵名宦李守中之女，贾珠之妻，贾兰之母。青春丧偶，居稻香村，"
     "心如槁木，专心教子，后贾兰得中，母以子贵。"),
    ("史太君", "金陵史侯家的小姐，贾代善之妻，贾赦、贾政、贾敏之母，"
     "府中上下称老太太、老祖宗。疼爱宝玉与黛玉，抄家之后忧劳成疾，寿终。"),
    ("贾探春", "贾政与赵姨娘之女，排行第三，住秋爽斋，才自精明志自高。"
     "曾代凤姐理家，兴利除弊，后远嫁海疆。"),
    ("秦可卿", "营缮郎秦业抱养之女，贾蓉之妻，秦钟之姊。生得袅娜纤巧，"
     "行事温柔和平，为贾母所重，年少病逝，丧事极尽奢华。"),
    ("平儿", "王熙凤的陪嫁丫鬟，贾琏之通房，为人平和公道，上下皆称其好，"
     "周旋于凤姐与贾琏之间，后被扶正。"),
    ("刘姥姥", "乡下农妇，王狗儿的岳母。三进荣国府，逗得贾母众人欢笑，"
     "后在贾府败落时救出巧姐。"),
    ("晴雯", "贾宝玉房中的大丫鬟，心灵手巧，性情刚烈，曾带病补孔雀裘。"
     "被王夫人撵出大观园，含冤病逝。"),
    ("香菱", "甄士隐之女，原名英莲，幼时被拐，后为薛蟠之妾。"
     "随黛玉学诗，苦心孤诣，梦中得句。"),
    ("巧姐", "贾琏与王熙凤之女，生于七月初七，刘姥姥为她取名。"
     "贾府败落时险被卖，得刘姥姥相救。"),
]

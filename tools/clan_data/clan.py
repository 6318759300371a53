"""The 贾 clan as the genealogy file holds it: members, the wives who married in, and the
placements this data makes where the novel names no father.

Edit the clan here, then run make_data.py; never edit data/home.txt by hand.

Dates are reference dates (yyyymmdd), not historical ones: they keep the order of birth among
siblings and the ages the story implies (贾芸 older than 贾宝玉, 薛宝钗 older than 贾宝玉, ...),
and the order of deaths in the story. A death date of None means the person is living at the
story's end.
"""

# The novel names nobody above the two dukes 贾演 and 贾源: the root is a placeholder.
ROOT_NAME = "贾始祖"

# Clan members, each listed after his or her father, children of one father in order of birth
# (the order of the table is the sibling chain order).
# Columns: name, sex, father, motherIndex ('0' none recorded, '1' first wife, '2' second wife),
#          married ('y'/'n'), birth date, death date or None, placed.
# placed=True marks a member whose father the novel does not name: he or she hangs under a man
# of the right generation and branch so that the tree can hold him (see data/README.md).
MEMBERS = [
    # generation 0
    (ROOT_NAME, "m", None, "0", "y", "16400301", "17050910", False),
    # generation 1: the dukes of 宁国 (the elder) and 荣国
    ("贾演", "m", ROOT_NAME, "0", "y", "16680205", "17360318", False),
    ("贾源", "m", ROOT_NAME, "0", "y", "16700817", "17400612", False),
    # generation 2: 宁公 had four sons, 代化 the eldest; 荣公's eldest was 代善
    ("贾代化", "m", "贾演", "0", "y", "16950410", "17600905", False),
    ("贾代儒", "m", "贾演", "0", "y", "17050712", None, True),
    ("贾代修", "m", "贾演", "0", "y", "17080306", None, True),
    ("贾代善", "m", "贾源", "0", "y", "17010923", "17681104", False),
    # generation 3
    ("贾敷", "m", "贾代化", "0", "n", "17260611", "17350208", False),
    ("贾敬", "m", "贾代化", "0", "y", "17300219", "17860417", False),
    ("贾敕", "m", "贾代儒", "0", "y", "17340505", None, True),
    ("贾效", "m", "贾代修", "0", "y", "17360820", None, True),
    ("贾敦", "m", "贾代修", "0", "y", "17390114", None, True),
    ("贾赦", "m", "贾代善", "1", "y", "17280302", None, False),
    ("贾政", "m", "贾代善", "1", "y", "17310715", None, False),
    ("贾敏", "f", "贾代善", "1", "y", "17400509", "17790916", False),
    # generation 4
    ("贾珍", "m", "贾敬", "0", "y", "17500916", None, False),
    ("贾惜春", "f", "贾敬", "0", "n", "17740302", None, False),
    ("贾瑞", "m", "贾敕", "0", "n", "17650611", "17840115", True),
    ("贾璜", "m", "贾效", "0", "y", "17450402", None, True),
    ("贾琼", "m", "贾效", "0", "y", "17480927", None, True),
    ("贾珩", "m", "贾敦", "0", "y", "17480113", None, True),
    ("贾珖", "m", "贾敦", "0", "y", "17500524", None, True),
    ("贾琛", "m", "贾敦", "0", "y", "17521019", "17760830", True),
    ("贾璘", "m", "贾敦", "0", "y", "17550307", "17790411", True),
    ("贾琏", "m", "贾赦", "0", "y", "17620830", None, False),
    ("贾迎春", "f", "贾赦", "0", "y", "17710208", "17890815", False),
    ("贾琮", "m", "贾赦", "0", "n", "17760601", None, False),
    ("贾珠", "m", "贾政", "1", "y", "17540305", "17740812", False),
    ("贾元春", "f", "贾政", "1", "y", "17570101", "17870114", False),
    ("贾宝玉", "m", "贾政", "1", "y", "17720426", None, False),
    ("贾探春", "f", "贾政", "2", "y", "17730509", None, False),
    ("贾环", "m", "贾政", "2", "n", "17750710", None, False),
    # generation 5
    ("贾蓉", "m", "贾珍", "0", "y", "17660920", None, False),
    ("贾菖", "m", "贾琼", "0", "n", "17700305", None, True),
    ("贾菱", "m", "贾琼", "0", "n", "17710612", None, True),
    ("贾芳", "m", "贾琼", "0", "n", "17740218", None, True),
    ("贾芝", "m", "贾琼", "0", "n", "17760903", None, True),
    ("贾蔷", "m", "贾珩", "0", "n", "17670804", None, True),
    ("贾蓁", "m", "贾珩", "0", "n", "17690810", None, True),
    ("贾芹", "m", "贾珖", "1", "n", "17690402", None, True),
    ("贾萍", "m", "贾珖", "0", "n", "17711102", None, True),
    ("贾荇", "m", "贾珖", "0", "n", "17740127", None, True),
    ("贾芷", "m", "贾珖", "0", "n", "17770515", None, True),
    ("贾芸", "m", "贾琛", "1", "n", "17670115", None, True),
    ("贾菌", "m", "贾璘", "1", "n", "17740911", None, True),
    ("贾藻", "m", "贾璘", "0", "n", "17760420", None, True),
    ("贾蘅", "m", "贾璜", "0", "n", "17730627", None, True),
    ("贾芬", "m", "贾璜", "0", "n", "17750119", None, True),
    ("巧姐", "f", "贾琏", "1", "y", "17820707", None, False),
    ("贾兰", "m", "贾珠", "1", "n", "17730918", None, False),
]

# Wives who married into the clan, first wives before second wives of the same man.
# Columns: name, husband, birth date, death date or None, placed.
# The placed wives are the widowed mothers the novel names (贾芸's mother 卜氏, 贾芹's mother
# 周氏, 贾菌's mother 娄氏); they go with the placed fathers of their sons.
WIVES = [
    ("史太君", "贾代善", "17050115", "17890920", False),
    ("邢夫人", "贾赦", "17400810", None, False),
    ("嫣红", "贾赦", "17680321", None, False),
    ("王夫人", "贾政", "17380222", None, False),
    ("赵姨娘", "贾政", "17480605", "17891120", False),
    ("尤氏", "贾珍", "17560420", None, False),
    ("佩凤", "贾珍", "17680212", None, False),
    ("金氏", "贾璜", "17500211", None, False),
    ("周氏", "贾珖", "17520130", None, True),
    ("卜氏", "贾琛", "17550618", None, True),
    ("娄氏", "贾璘", "17580702", None, True),
    ("王熙凤", "贾琏", "17640902", "17891225", False),
    ("尤二姐", "贾琏", "17670315", "17860910", False),
    ("李纨", "贾珠", "17550810", None, False),
    ("薛宝钗", "贾宝玉", "17700121", None, False),
    ("秦可卿", "贾蓉", "17690506", "17840310", False),
    ("许氏", "贾蓉", "17700814", None, False),
]

café 日本 ?

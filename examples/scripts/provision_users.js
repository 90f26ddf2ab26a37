// Adds the users of a list that the database does not know yet and brings
// the types of the others up to date. Needs the right to modify users.
var wanted = [
    { name: "ana", first: "Ana", last: "Silva", type: User.ANIMATOR },
    { name: "bo", first: "Bo", last: "Lind", type: User.INK_PAINT },
    { name: "cy", first: "Cy", last: "Park", type: User.COORDINATOR }
];

for (var i = 0; i < wanted.length; ++i) {
    var user = new User(wanted[i].name);
    user.firstName = wanted[i].first;
    user.lastName = wanted[i].last;
    user.type = wanted[i].type;
    var known = Tallyard.verifyUser(user);
    var ok = known ? Tallyard.modifyUser(user) : Tallyard.addUser(user);
    Tallyard.printToConsole((known ? "updated " : "added ") + user.name + " (type " + user.type + ")"
                            + (ok ? "" : " -- refused"));
}
Tallyard.users().length + " user(s) in the database";
